       01 DIMS.
          05 ONE-CHAR PIC X.
          05 ONE-CHAR-3 PIC X OCCURS 3.
          05 CNT-N PIC 9.
          05 FOUR-DEP PIC X(4) OCCURS 0 TO 9 DEPENDING ON CNT-N.
          05 NUM-5 PIC S9(4) COMP OCCURS 5 TIMES.
          05 ONCE PIC X(2) OCCURS 1.
          05 ONCE-1 PIC X OCCURS 1.
          05 PTRS POINTER OCCURS 2.
          05 GRP OCCURS 4.
             10 G-A PIC X.
