-- COPY inside transaction blocks: one committed, one aborted by bad data.
create table copy_block (a int, b text);
begin;
copy copy_block from stdin;
1	one
2	two
\.
insert into copy_block values (3, $$three$$);
commit;
begin;
copy copy_block from stdin;
4	four
five	five
\.
insert into copy_block values (6, $$six$$);
rollback;
select a, b from copy_block order by a;
