      * SYNC slack before binary and floating items at every
      * remainder, and SYNC that aligns nothing.
       01 SYNC-RECORD.
          05 A                       PIC X.
          05 HALF                    PIC S9(4) COMP SYNC.
          05 B                       PIC X.
          05 FULL                    PIC S9(9) COMP SYNC.
          05 C                       PIC X(3).
          05 LONG-ONE                PIC S9(18) COMP SYNC.
          05 D                       PIC X(2).
          05 REAL-4                  COMP-1 SYNC.
          05 E                       PIC X(5).
          05 REAL-8                  COMP-2 SYNCHRONIZED.
          05 F                       PIC X.
          05 ALIGNED-ALREADY         PIC S9(4) COMP SYNC.
          05 NOT-SYNCED              PIC S9(9) COMP.
          05 G                       PIC X(3).
          05 PACKED-SYNC             PIC S9(5) COMP-3 SYNC.
          05 DISPLAY-SYNC            PIC 9(5) SYNC.
          05 H                       PIC X.
