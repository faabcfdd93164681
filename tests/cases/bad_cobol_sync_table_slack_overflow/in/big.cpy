      * The slack that ends an occurrence takes it past 2147483647 bytes.
       01  R.
           05  T               OCCURS 2.
               10  A           PIC X(2147483640).
               10  B           PIC S9(9) COMP SYNC.
               10  C           PIC X.
