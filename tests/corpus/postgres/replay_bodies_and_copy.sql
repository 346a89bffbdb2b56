-- Run as a script, and replayed from the log that tarnwick-log makes of it:
-- dollar-quoted bodies holding ";", COPY data with tabs, inserts, selects.
create table replay_items (id int primary key, name text, note text);
create function replay_label(n int) returns text language plpgsql as $$
declare
  label text;
begin
  label := 'item ' || n;  -- ";" ends nothing inside the body
  return label;
end;
$$;
do $$
begin
  insert into replay_items values (100, replay_label(100), 'from DO; after a ";"');
end
$$;
do $body$ begin perform replay_label(1); end $body$;
copy replay_items from stdin;
1	one	tab-separated
2	two	\N
3	three	a\tb; c
\.
insert into replay_items values (4, 'four', 'it''s; quoted');
insert into replay_items values (5, replay_label(5), $$dollar; quoted$$);
select id, name, note from replay_items order by id;
-- Rows that differ from what the script wrote; none when all came in whole.
create table replay_items_unexpected as
  select * from replay_items
  except select * from (values
    (1, 'one', 'tab-separated'),
    (2, 'two', null),
    (3, 'three', E'a\tb; c'),
    (4, 'four', 'it''s; quoted'),
    (5, 'item 5', 'dollar; quoted'),
    (100, 'item 100', 'from DO; after a ";"')) as expected;
select count(*) from replay_items_unexpected;
