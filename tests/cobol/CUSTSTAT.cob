           05  :TAG:-STATUS    PIC X.
               88  :TAG:-ACTIVE VALUE 'A'.
