       01 C.
          05 A PIC 99 COMP.
