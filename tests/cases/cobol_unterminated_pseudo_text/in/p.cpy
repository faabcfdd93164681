       01 R.
           COPY M REPLACING ==:TAG:
              BY X.
