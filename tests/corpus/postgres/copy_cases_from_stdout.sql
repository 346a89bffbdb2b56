-- The server takes COPY ... FROM STDOUT as input from the client.
create table copy_stdout (a int, b text);
copy copy_stdout from stdout;
1	one
2	two
\.
select a, b from copy_stdout order by a;
