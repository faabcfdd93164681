           05 :TAG:-A PIC X.
