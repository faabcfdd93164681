       01 DUP.
          05 PIC X(3).
          05 FILLER PIC X.
          05 OLD-FILLER-2 PIC X(2).
