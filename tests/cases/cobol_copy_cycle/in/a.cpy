       01 R.
           COPY B.
