      * Nested groups, OCCURS at several depths, depending tables,
      * level numbers that skip, FILLER and conditions.
       01 CUSTOMER-RECORD.
          05 CUST-ID                 PIC 9(8).
          05 CUST-NAME.
             10 FIRST-NAME           PIC X(15).
             10 LAST-NAME            PIC X(20).
          05 CUST-STATUS             PIC X.
             88 ACTIVE               VALUE 'A'.
             88 CLOSED               VALUE 'C'.
          05 ADDRESSES OCCURS 3 TIMES.
             10 ADDR-LINE            PIC X(30) OCCURS 2.
             10 POSTCODE.
                15 POST-OUT          PIC X(4).
                15 POST-IN           PIC X(3).
             10 ADDR-FLAGS           PIC 9 OCCURS 4.
          05 FILLER                  PIC X(5).
          05 PHONE-COUNT             PIC 9(2).
          05 PHONES OCCURS 0 TO 5 TIMES DEPENDING ON PHONE-COUNT.
             07 PHONE-NUMBER         PIC X(12).
             07 PHONE-KIND           PIC X.
          05 BALANCE                 PIC S9(7)V99 COMP-3.
          05 HISTORY.
             10 YEARS OCCURS 2.
                15 MONTHS OCCURS 12.
                   20 AMOUNT         PIC S9(5)V99 COMP-3.
                   20 TXN-COUNT      PIC 9(4) COMP.
          05 TAIL                    PIC X(3).
