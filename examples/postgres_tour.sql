-- A tour of tarnwick on PostgreSQL, with the syntax psql scripts use:
-- a function whose body is dollar-quoted, a trigger, COPY with its data
-- inline, and statements that return rows without beginning with "select".
--
--   tarnwick --host=HOST --port=PORT --user=USER --mode=w --sql=postgres_tour.sql

drop schema if exists tour cascade;
create schema tour;
set search_path to tour;

create table stock (item text primary key, qty int not null, changed int default 0);

-- The body holds ";" and "--": the dollar quotes keep it whole.
create function count_change() returns trigger language plpgsql as $body$
begin
  -- every update of a quantity counts; the count is kept in the row
  new.changed := old.changed + 1;
  return new;
end;
$body$;

create trigger stock_changed before update of qty on stock
  for each row execute function count_change();

-- The data lines go to the server as they are, up to the line "\.".
copy stock (item, qty) from stdin;
apples	12
pears	7
plums;ripe	3
\.

-- Rows come back from an insert, an update and a values list too.
insert into stock (item, qty) values ('figs', 5) returning item, qty;
update stock set qty = qty # 1 where item = 'pears' returning item, qty, changed;
values (E'it\'s', U&'\0041BC');

with low as (select item, qty from stock where qty < 10)
select * from low order by item;

-- psql's own commands mean nothing here: skipped, with a note on stderr.
\echo done

drop schema tour cascade;
