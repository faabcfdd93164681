      * Names: REDEFINES and DEPENDING ON objects in another letter case.
       01  Names-Record.
           05  Item-Count      PIC 9(2).
           05  Item-Code       PIC X(4).
           05  item-number     REDEFINES ITEM-CODE PIC 9(4).
           05  Items           PIC X(3) OCCURS 1 TO 5
                               DEPENDING ON ITEM-COUNT.
