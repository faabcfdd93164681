      * Entries without names: a level number and any clause.
       01  NAMELESS-RECORD.
           05  NR-COUNT        PIC 9(2) COMP.
           05  NR-AREA         PIC X(6).
           05  REDEFINES NR-AREA.
               10  PIC X(2).
               10  NR-PART     PIC X(4).
           05  OCCURS 3 TIMES.
               10  NR-CODE     PIC X.
           05  USAGE COMP-3 PIC S9(5).
           05  COMP-3 PIC S9(3).
           05  VALUE 'A' PIC X.
           05  SYNC PIC S9(4) COMP.
           05  SIGN LEADING SEPARATE PIC S9(3).
           05  TRAILING SEPARATE PIC S9(3).
           05  JUST RIGHT PIC X(3).
           05  BLANK WHEN ZERO PIC 9(3).
           05  NR-LAST         PIC X.
       01  NAMELESS-TABLE.
           05  NT-COUNT        PIC 9(2) COMP.
           05  OCCURS 1 TO 5 DEPENDING ON NT-COUNT.
               10  NT-ITEM     PIC X(2).
