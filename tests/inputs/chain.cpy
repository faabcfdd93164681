       01 CHAINS.
          05 A PIC X(8).
          05 B REDEFINES A PIC X(10).
          05 C PIC X(4).
          05 D REDEFINES C PIC X(3).
          05 E REDEFINES C PIC X(5).
          05 G.
             10 P PIC X(2).
             10 Q REDEFINES P PIC X(3).
