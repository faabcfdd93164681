      *****************************************************************
      * CUSTOMER MASTER RECORD                                        *
      *****************************************************************
       01  CUSTOMER-RECORD.
           05  CUST-ID                 PIC 9(8).
           05  CUST-NAME.
               10  CUST-FIRST-NAME     PIC X(15).
               10  CUST-LAST-NAME      PIC X(25).
           05  CUST-STATUS             PIC X.
               88  CUST-ACTIVE         VALUE 'A'.
               88  CUST-SUSPENDED      VALUE 'S'.
               88  CUST-CLOSED         VALUE 'C'.
           05  CUST-ADDRESS.
               10  CUST-STREET         PIC X(30) OCCURS 2 TIMES.
               10  CUST-CITY           PIC X(20).
               10  CUST-POSTCODE       PIC X(8).
               10  CUST-COUNTRY        PIC X(2).
           05  CUST-OPENED-DATE.
               10  CUST-OPENED-YEAR    PIC 9(4).
               10  CUST-OPENED-MONTH   PIC 9(2).
               10  CUST-OPENED-DAY     PIC 9(2).
           05  CUST-CREDIT-LIMIT       PIC S9(7)V99 COMP-3.
           05  CUST-BALANCE            PIC S9(7)V99
                                       SIGN LEADING SEPARATE.
           05  FILLER                  PIC X(10).
