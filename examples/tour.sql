-- A tour of tarnwick on the embedded engine: make a small database, fill
-- it, query it, see an engine error, pause, and quit.

create table city (id int primary key, name text, country text, people int);
insert into city values
  (1, 'Oslo', 'Norway', 709000),
  (2, 'Bergen', 'Norway', 291000),
  (3, 'Rome', 'Italy', 2873000),
  (4, 'Porto', 'Portugal', NULL);

# Every query prints its row count, then a framed table.
select * from city order by id;

select country, count(*) as cities, sum(people) as people
  from city group by country order by country;

update city set people = 232000 where name = 'Porto';

/* Quoted text may hold ';' and doubled quotes. */
select 'it''s; fine' as quoted;

-- An engine error is printed and the run goes on.
select * from town;

-- A pause of one second: the number follows the word "pause" directly.
pause1;

select name from city where people > 500000 order by name;

quit;
select 'never reached';
