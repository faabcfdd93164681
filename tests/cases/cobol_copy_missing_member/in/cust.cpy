       01 CUST.
           COPY CUSTREC.
