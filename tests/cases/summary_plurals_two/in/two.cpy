       01 TWO.
          05 A PIC X.
             88 A-Y VALUE 'Y'.
          05 B REDEFINES A PIC X.
          05 C PIC X.
             88 C-Y VALUE 'Y'.
          05 D REDEFINES C PIC X.
