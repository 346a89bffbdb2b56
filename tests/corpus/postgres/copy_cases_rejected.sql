-- The server refuses this COPY, so the lines after it are SQL again:
-- the two data lines and the insert make one (bad) statement.
create table copy_rejected (a int, b text);
copy copy_rejected from stdin (format nope);
1	one
2	two
\.
insert into copy_rejected values (3, $$three$$);
insert into copy_rejected values (4, $$four$$);
select a, b from copy_rejected order by a;
