      *****************************************************************
      * STATISTICS RECORD WITH BINARY, PACKED AND SYNCHRONIZED FIELDS *
      *****************************************************************
       01  STATS-RECORD.
           05  STAT-KEY                PIC X(5).
           05  STAT-SEQUENCE           PIC S9(9) COMP SYNC.
           05  STAT-FLAGS              PIC X(3).
           05  STAT-TOTAL              PIC S9(18) COMP SYNC.
           05  STAT-COUNT              PIC 9(4) COMP.
               88  STAT-EMPTY          VALUE 0.
           05  STAT-AVERAGE            COMP-2 SYNC.
           05  STAT-RATIO              COMP-1.
           05  STAT-AMOUNTS COMP-3.
               10  STAT-MINIMUM        PIC S9(7)V99.
               10  STAT-MAXIMUM        PIC S9(7)V99.
           05  STAT-SMALL              PIC S9(2) COMP.
           05  STAT-BUCKETS            PIC 9(5) COMP OCCURS 12.
