      * Every occurrence of T aligns its SYNC item like the first: three
      * slack bytes before T-COUNT, and three after T-FLAG that end it.
       01  REC.
           05  HEAD            PIC X(4).
           05  T               OCCURS 3.
               10  T-CODE      PIC X.
               10  T-COUNT     PIC S9(9) COMP SYNC.
               10  T-FLAG      PIC X.
           05  TAIL            PIC X.
