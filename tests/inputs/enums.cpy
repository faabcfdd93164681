       01 ENUMS.
          05 STATUS-CODE PIC X.
             88 ACTIVE VALUE 'A'.
             88 CLOSED VALUE 'C'.
          05 RC PIC S9(4) COMP.
             88 RC-OK VALUE 0.
             88 RC-WARN VALUE 4.
          05 ONLY-OTHERS PIC X.
             88 ENDED VALUE HIGH-VALUE.
             88 VALID VALUE '1' THRU '9'.
             88 SMALL VALUES '1' '2' '3'.
          05 MIXED PIC 9.
             88 ONE-RANGE VALUE 1 THRU 3.
             88 NINE VALUE 9.
          05 BLANKS PIC X(2).
             88 IS-BLANK VALUE SPACE.
          05 RATE PIC 9V9.
             88 HALF VALUE 0.5.
          05 PACKED-AMT PIC S9(3) COMP-3.
             88 PA-ZERO VALUE 0.
          05 G1.
             10 NAME-X PIC X.
                88 NX-A VALUE 'A'.
          05 G2.
             10 NAME-X PIC X.
                88 NX-B VALUE 'B'.
          05 A-FILLER PIC X.
             88 AF-Y VALUE 'Y'.
