       01 WARN.
          05 A PIC X.
          05 B PIC S9(4) COMP.
          05 C PIC S9(9) COMP.
          05 D PIC S9(9) COMP SYNC.
          05 E PIC X(2).
          05 F REDEFINES E PIC X(5).
          05 G COMP-2.
