-- A script in the sqlite3 shell's own style: dot commands, comments,
-- bracketed and back-quoted names, a trigger and an error half-way.
.headers on
.mode column
create table [city list] (`id` integer primary key, "name;x" text, people int);
create table audit (msg text);
create trigger city_added after insert on [city list]
begin
  insert into audit values ('added ' || new."name;x");
  insert into audit values ('count; ' || (select count(*) from [city list]));
end;
insert into [city list] ("name;x", people) values ('Oslo', 709000), ('Rome', 2873000);
# a hash comment on SQLite
insert into no_such_table values (1);
/** a header **/
insert into [city list] ("name;x", people) values ('Porto', NULL) returning `id`;
update [city list] set people = people + 1 where "name;x" = 'Oslo';
pragma user_version = 7;
