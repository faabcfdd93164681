       01 R.
          05 A PIC X(100000) OCCURS 100000.
