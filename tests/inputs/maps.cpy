      * Every kind of map row: slack, padding, a redefine chain, nested
      * tables under a count, condition names; a record of 950 bytes,
      * whose end offsets take three digits.
       01 MAP-RECORD.
          05 KIND                    PIC X.
             88 KIND-A               VALUE 'A'.
             88 KIND-B               VALUE 'B' 'C'.
             88 KIND-LETTER          VALUE 'A' THRU 'I', 'J' THRU 'R'.
          05 COUNTER                 PIC S9(9) COMP SYNC.
          05 NOTES                   PIC X(870).
          05 DATA-AREA               PIC X(10).
             88 DATA-PATH            VALUE 'C:\DIR'.
          05 DATA-NUMBERS REDEFINES DATA-AREA.
             10 DATA-HIGH            PIC S9(4) COMP SYNC.
             10 FILLER               PIC X(3).
          05 ROW-COUNT               PIC 9(2).
             88 ROWS-FEW             VALUE 1, 2 THRU 3.
          05 ROWS OCCURS 1 TO 3 DEPENDING ON ROW-COUNT.
             10 ROW-NAME             PIC X(4).
             10 ROW-FLAGS            PIC X OCCURS 2.
             10 CELLS OCCURS 2.
                15 CELL-VALUE        PIC S9(5)V99 COMP-3.
                15 CELL-SIGN         PIC S9(3) SIGN LEADING SEPARATE.
