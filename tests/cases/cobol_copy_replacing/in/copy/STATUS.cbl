           05 :TAG:-STATUS PIC X.
              88 ACTIVE  VALUE 'A'.
