-- The file ends inside the COPY data: what was read is sent as it stands.
create table copy_no_end (a int, b text);
insert into copy_no_end values (0, $$zero$$);
copy copy_no_end from stdin;
1	one
2	two
