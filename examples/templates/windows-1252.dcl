<!SGML "ISO 8879:1986"
  -- The SGML declaration the session puts before each document it
     exports: the document character set is windows-1252, the server's,
     in which the text is written as it came. Below 128 ISO 646; above it
     the characters of ISO 10646 that windows-1252 places there (the five
     bytes it leaves undefined are UNUSED). The rest is the reference
     concrete syntax, with only the C0 controls and DEL shunned. --
  CHARSET
    BASESET "ISO 646IRV:1991//CHARSET International Reference Version (IRV)//ESC 2/8 4/2"
    DESCSET 0 9 UNUSED 9 2 9 11 2 UNUSED 13 1 13 14 18 UNUSED 32 95 32 127 1 UNUSED
    BASESET "ISO 10646-1:1993 UCS-4 with implementation level 3//CHARSET ISO 10646-1:1993 UCS-4 with implementation level 3//ESC 2/5 2/15 4/6"
    DESCSET 128 1 8364 129 1 UNUSED 130 1 8218 131 1 402 132 1 8222 133 1 8230
            134 2 8224 136 1 710 137 1 8240 138 1 352 139 1 8249 140 1 338
            141 1 UNUSED 142 1 381 143 2 UNUSED 145 2 8216 147 2 8220 149 1 8226
            150 2 8211 152 1 732 153 1 8482 154 1 353 155 1 8250 156 1 339
            157 1 UNUSED 158 1 382 159 1 376 160 96 160
  CAPACITY PUBLIC "ISO 8879:1986//CAPACITY Reference//EN"
  SCOPE DOCUMENT
  SYNTAX
    SHUNCHAR CONTROLS 0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23
             24 25 26 27 28 29 30 31 127
    BASESET "ISO 646IRV:1991//CHARSET International Reference Version (IRV)//ESC 2/8 4/2"
    DESCSET 0 128 0
    FUNCTION RE 13 RS 10 SPACE 32 TAB SEPCHAR 9
    NAMING LCNMSTRT "" UCNMSTRT "" LCNMCHAR "-." UCNMCHAR "-."
           NAMECASE GENERAL YES ENTITY NO
    DELIM GENERAL SGMLREF SHORTREF SGMLREF
    NAMES SGMLREF
    QUANTITY SGMLREF
  FEATURES
    MINIMIZE DATATAG NO OMITTAG YES RANK NO SHORTTAG YES
    LINK SIMPLE NO IMPLICIT NO EXPLICIT NO
    OTHER CONCUR NO SUBDOC NO FORMAL YES
  APPINFO NONE>
