      * COPY: members beside the copybook, REPLACING pseudo-text, a :TAG:
      * and words, a nested member.
       01  COPY-RECORD.
           COPY "CUSTNAME" REPLACING ==:TAG:== BY ==CUST==.
           COPY AMOUNT OF LIB SUPPRESS
                REPLACING AMT BY BALANCE ==PIC X(2)== BY ==PIC X(6)==.
