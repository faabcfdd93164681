       01 A PIC X.
          88 A-Y VALUE 'Y'.
       01 B REDEFINES A PIC X.
