      *****************************************************************
      * ACCOUNT RECORD: ONE LAYOUT PER ACCOUNT KIND, AND A TABLE OF    *
      * RECENT TRANSACTIONS WHOSE LENGTH DEPENDS ON A COUNT            *
      *****************************************************************
       01  ACCOUNT-RECORD.
           05  ACCT-NUMBER             PIC X(12).
           05  ACCT-KIND               PIC X.
               88  ACCT-PERSONAL       VALUE 'P'.
               88  ACCT-BUSINESS       VALUE 'B'.
           05  ACCT-DETAILS            PIC X(40).
           05  ACCT-PERSONAL-DETAILS REDEFINES ACCT-DETAILS.
               10  HOLDER-NAME         PIC X(30).
               10  HOLDER-BIRTH-DATE   PIC 9(8).
           05  ACCT-BUSINESS-DETAILS REDEFINES ACCT-DETAILS.
               10  COMPANY-NAME        PIC X(35).
               10  COMPANY-REG-NO      PIC 9(9) COMP.
               10  COMPANY-EMPLOYEES   PIC 9(7) COMP-3.
               10  COMPANY-SECTOR      PIC X(3).
           05  ACCT-OPENED             PIC 9(8).
           05  ACCT-OPENED-PARTS REDEFINES ACCT-OPENED.
               10  OPENED-YEAR         PIC 9(4).
               10  OPENED-MONTH        PIC 9(2).
               10  OPENED-DAY          PIC 9(2).
           05  TXN-COUNT               PIC S9(4) COMP.
           05  TRANSACTIONS OCCURS 0 TO 20 TIMES
                   DEPENDING ON TXN-COUNT.
               10  TXN-DATE            PIC 9(8).
               10  TXN-AMOUNT          PIC S9(9)V99 COMP-3.
               10  TXN-CODE            PIC X(2).
                   88  TXN-DEPOSIT     VALUE 'DP'.
                   88  TXN-WITHDRAWAL  VALUE 'WD'.
