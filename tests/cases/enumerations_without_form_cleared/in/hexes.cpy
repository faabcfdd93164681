       01 HEXES.
          05 PACKED-AMT PIC S9(3) COMP-3.
             88 PA-ZERO VALUE 0.
          05 SIGNED-D PIC S9(3).
             88 SD-ONE VALUE 1.
          05 PTR POINTER.
             88 PTR-NULL VALUE NULL.
          05 GRP.
             88 ON-GROUP VALUE 'X'.
             10 IN-G PIC X.
          05 KEPT PIC X.
             88 KEPT-Y VALUE 'Y'.
