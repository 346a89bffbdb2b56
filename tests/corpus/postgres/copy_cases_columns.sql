-- Several columns separated by tabs, NULLs written \N, escapes inside fields.
create table copy_columns (a int, b text, c numeric, d date, e text);
copy copy_columns from stdin;
1	one	1.5	2024-01-31	plain
2	\N	\N	\N	tab\there
3		0	2024-02-29	back\\slash
\.
copy copy_columns (e, a) from stdin with (format csv, null 'NULL');
"a, ""quoted"" field",4
NULL,5
\.
-- Rows that differ from what the data says; none when every field came in.
create table copy_columns_unexpected as
  select * from copy_columns
  except select * from (values
    (1, 'one', 1.5, date '2024-01-31', 'plain'),
    (2, null, null, null, E'tab\there'),
    (3, '', 0, date '2024-02-29', E'back\\slash'),
    (4, null, null, null, 'a, "quoted" field'),
    (5, null, null, null, null)) as expected;
select * from copy_columns_unexpected;
