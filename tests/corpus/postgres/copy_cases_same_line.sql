-- The rest of the COPY statement's line runs after its data.
create table copy_same_line (a int, b text);
copy copy_same_line from stdin; insert into copy_same_line values (3, $$three$$);
1	one
2	two
\.
select a, b from copy_same_line order by a;
