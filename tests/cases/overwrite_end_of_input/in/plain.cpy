       01 PLAIN.
          05 A PIC X.
