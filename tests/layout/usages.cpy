      * Every usage with signed and unsigned pictures, and scale.
       01 USAGES.
          05 ALPHA            PIC X(7).
          05 ALPHA-A          PIC A(3).
          05 UNSIGNED-DISP    PIC 9(5)V99.
          05 SIGNED-DISP      PIC S9(5).
          05 SIGN-LEAD-SEP    PIC S9(3) SIGN IS LEADING SEPARATE.
          05 SIGN-TRAIL-SEP PIC S9V99 SIGN TRAILING SEPARATE CHARACTER.
          05 SIGN-LEAD        PIC S9(4) SIGN LEADING.
          05 PACKED-1         PIC S9 COMP-3.
          05 PACKED-2         PIC 9(2) COMP-3.
          05 PACKED-9         PIC S9(7)V99 COMP-3.
          05 PACKED-DEC       PIC 9(4) PACKED-DECIMAL.
          05 PACKED-18        PIC S9(18) COMPUTATIONAL-3.
          05 BIN-1            PIC S9 COMP.
          05 BIN-2            PIC 99 BINARY.
          05 BIN-3            PIC S9(3) COMP-4.
          05 BIN-4            PIC 9(4) COMP-5.
          05 BIN-5            PIC S9(5) COMPUTATIONAL.
          05 BIN-9            PIC 9(9) COMPUTATIONAL-4.
          05 BIN-10           PIC S9(10) COMPUTATIONAL-5.
          05 BIN-18           PIC 9(18) COMP.
          05 BIN-SCALED       PIC S9(3)V9(4) COMP.
          05 FLOAT-1          COMP-1.
          05 DOUBLE-2         COMP-2.
          05 USAGE-FIRST      USAGE IS COMP-3 PIC S9(5).
          05 DISPLAY-FIRST    DISPLAY PIC X(2).
          05 VALUE-THEN-USAGE PIC S9(05) VALUE +4 COMP-5.
          05 LAST-BYTE        PIC X.
