       01 DUP.
          05 ADDR.
             10 X PIC X.
          05 PIC X(3).
          05 FILLER PIC X.
          05 FILLER.
             10 F-IN PIC X.
          05 OLD-FILLER-2 PIC X(2).
          05 filler-low PIC X.
          05 X PIC X.
          05 X PIC X.
          05 WRAP.
             10 ADDR.
                15 Y PIC X.
