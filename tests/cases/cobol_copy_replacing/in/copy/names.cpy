           05 :TAG:-FIRST PIC X(10).
           05 :TAG:-LAST  PIC X(20).
           COPY STATUS.
