      * USAGE and SIGN written on groups apply to the numeric items
      * below them that give none of their own.
       01 GROUP-CLAUSES.
          05 AMOUNTS COMP-3.
             10 AMOUNT-A             PIC S9(5).
             10 AMOUNT-B             PIC 9(7)V99.
             10 INNER.
                15 AMOUNT-C          PIC S9(3).
          05 COUNTERS USAGE IS COMP.
             10 COUNT-A              PIC 9(4).
             10 COUNT-B              PIC S9(9).
             10 COUNT-C              PIC S9(5) COMP-3.
          05 SIGNED-GROUP SIGN IS LEADING SEPARATE.
             10 SIGNED-A             PIC S9(4).
             10 SIGNED-B             PIC 9(4).
             10 SIGNED-C             PIC S9(3) SIGN TRAILING.
          05 TAIL                    PIC X.
