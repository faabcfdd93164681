      * SYNC items in every occurrence of a table, tables on a boundary.
       01  SYNC-RECORD.
           05  SY-HEAD         PIC X(4).
           05  SY-TABLE        OCCURS 3.
               10  SY-FLAG     PIC X.
               10  SY-CODE     PIC X.
               10  SY-COUNT    PIC S9(9) COMP SYNC.
           05  SY-PAIRS        OCCURS 2.
               10  SY-SHORT    PIC S9(4) COMP SYNC.
               10  SY-PAD      PIC X(2).
               10  SY-LONG     PIC S9(9) COMP SYNC.
           05  SY-TAIL         PIC X.
