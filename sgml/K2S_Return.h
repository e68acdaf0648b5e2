#pragma once

// The status of every converter operation. Value 5 is not used.
enum K2S_Return {
  K2S_OK = 0,              // success
  K2S_TEMPLATE_ERROR = 1,  // the template does not follow the template language
  K2S_OPEN_ERROR = 2,      // the template could not be opened, or the SGML file not created
  K2S_NO_MEMORY = 3,       // an allocation failed
  K2S_WRITE_ERROR = 4,     // a write to the SGML file failed
  K2S_NO_TEMPLATE = 6,     // there is no template, or it has no entries
  K2S_NO_DATA = 7,         // no field has been inserted
};
