       01 SYNCS.
          05 A PIC X.
          05 B PIC S9(9) COMP SYNC.
          05 C PIC S9(4) COMP SYNC.
          05 D COMP-2 SYNC.
          05 E PIC 9(5) SYNC.
          05 F PIC S9(5) COMP-3 SYNC.
          05 G SYNC.
             10 H PIC X.
