       01 CUST-REC.
          05 CUST-ID PIC 9(6).
          05 CUST-STATUS PIC X.
             88 ACTIVE VALUE 'A'.
             88 CLOSED VALUE 'C'.
          05 BALANCE PIC S9(7)V99 COMP-3.
          05 ADDR.
             10 LINE PIC X(30) OCCURS 2.
          05 FILLER PIC X(5).
