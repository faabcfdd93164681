      * The customer record: its fields come from members.
       01 CUSTOMER.
           COPY "names" REPLACING ==:TAG:== BY == CUST ==
                                  ==PIC X(10)== BY ==PIC X(12)==.
           COPY AMOUNTS IN LIB SUPPRESS REPLACING amt-z BY BALANCE.
