       01 SAME.
          05 A PIC X.
