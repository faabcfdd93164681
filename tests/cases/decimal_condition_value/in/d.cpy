       01 D.
          05 RATE PIC 9V99.
             88 RATE-HALF VALUE 0.50.
             88 RATE-ONE VALUE 1.00.
          05 N PIC S9(05) VALUE +4 COMP-5.
