      * Usages of other compilers, as cobc -std=mf sizes them.
       01  OTHER-USAGES.
           05  OU-CHAR         BINARY-CHAR.
           05  OU-CHAR-U       BINARY-CHAR UNSIGNED.
           05  OU-SHORT        BINARY-SHORT SIGNED.
           05  OU-SHORT-U      USAGE BINARY-SHORT UNSIGNED.
           05  OU-LONG         BINARY-LONG.
           05  OU-LONG-U       BINARY-LONG UNSIGNED.
           05  OU-DOUBLE       BINARY-DOUBLE.
           05  OU-DOUBLE-U     BINARY-DOUBLE UNSIGNED.
           05  OU-FLOAT        FLOAT-SHORT.
           05  OU-DOUBLE-F     FLOAT-LONG.
           05  OU-X1           PIC 9(2) COMP-X.
           05  OU-X2           PIC S9(4) COMPUTATIONAL-X.
           05  OU-X3           PIC 9(7) COMP-X.
           05  OU-X4           PIC 9(9) COMP-X.
           05  OU-X5           PIC 9(12) COMP-X.
           05  OU-X8           PIC 9(18) COMP-X.
           05  OU-X9           PIC 9(20) COMP-X.
           05  OU-XC           PIC X(3) COMP-X.
           05  OU-XC2          PIC XX COMP-X.
           05  OU-N            PIC 9(5) COMP-N.
           05  OU-N4           PIC 9(8) COMPUTATIONAL-N.
           05  OU-N-X          PIC X COMP-N.
           05  OU-P6           PIC 9(3) COMP-6.
           05  OU-P6-EVEN      PIC 9(4)V99 COMPUTATIONAL-6.
           05  OU-TABLE        OCCURS 2.
               10  OU-T-LONG   BINARY-LONG.
               10  OU-T-X      PIC 9(3) COMP-X.
