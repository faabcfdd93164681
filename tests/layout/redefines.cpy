      * Redefine chains: shorter and longer alternatives, three
      * alternatives, a redefinition of a redefinition, groups that
      * redefine, and chains inside groups that occur.
       01 ACCOUNT-RECORD.
          05 ACCOUNT-KIND            PIC X.
          05 ACCOUNT-DATA            PIC X(20).
          05 PERSONAL REDEFINES ACCOUNT-DATA.
             10 BIRTH-DATE           PIC 9(8).
             10 SALARY               PIC S9(7)V99 COMP-3.
          05 BUSINESS REDEFINES ACCOUNT-DATA.
             10 COMPANY-NO           PIC 9(10).
             10 TURNOVER             PIC S9(13)V99 COMP-3.
             10 EMPLOYEES            PIC 9(7) COMP.
          05 SHORT-CODE              PIC X(4).
          05 CODE-NUMBER REDEFINES SHORT-CODE PIC S9(9) COMP.
          05 CODE-PARTS REDEFINES CODE-NUMBER.
             10 CODE-HIGH            PIC X(2).
             10 CODE-LOW             PIC X(2).
          05 TOTALS OCCURS 2.
             10 TOTAL-TEXT           PIC X(6).
             10 TOTAL-PACKED REDEFINES TOTAL-TEXT PIC S9(9) COMP-3.
             10 TOTAL-FLAG           PIC X.
          05 SMALL                   PIC X.
          05 BIGGER REDEFINES SMALL  PIC X(3).
          05 AFTER-CHAIN             PIC X(2).
