       01 REC.
          05 A PIC X(2).
          05 B PIC S9(4) COMP.
