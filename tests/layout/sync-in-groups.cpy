      * SYNC items inside groups, nested groups and a table.
       01 SYNC-GROUPS.
          05 LEAD                    PIC X(3).
          05 INNER.
             10 TAG                  PIC X.
             10 COUNTER              PIC S9(9) COMP SYNC.
          05 MIDDLE                  PIC X.
          05 DEEPER.
             10 LEVEL-TWO.
                15 MARK              PIC X(2).
                15 AMOUNT            PIC S9(4) COMP SYNC.
          05 TAIL                    PIC X.
