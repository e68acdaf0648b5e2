#pragma once

#include <string>
#include <vector>

// What the server says about a database (GetBaseInfo's XML) or about all of
// them (the database list), as the session shows it: the field codes, the
// base's name and size, its titles and files, the databases listed, each in
// the order the elements are met. A text that is not XML gives empty lists.
struct BaseInformation {
  struct Base {
    std::string name;
    std::string documents;  // the count, as the server wrote it
  };

  std::vector<std::string> fields;  // the "code" of each <field>
  std::vector<Base> bases;          // each <base>
  std::vector<std::string> titles;  // the text of each <title>
  std::vector<std::string> files;   // the "name" of each <file>
  std::vector<Base> databases;      // each <database> of a database list

  // Reads the XML with libxml2, without network access or entities.
  static BaseInformation Parse(const std::string& xml);
};
