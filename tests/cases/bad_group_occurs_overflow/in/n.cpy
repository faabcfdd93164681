       01 R.
          05 G OCCURS 65536.
             10 H OCCURS 65536.
                15 A PIC X.
