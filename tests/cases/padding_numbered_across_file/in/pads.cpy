       01 PADS.
          05 G1.
             10 A PIC X.
             10 B REDEFINES A PIC X(2).
          05 G2.
             10 C PIC X(2).
             10 D REDEFINES C PIC X(5).
          05 E PIC X.
          05 F REDEFINES E PIC X(3).
