-- The database whose sqlite3 .dump the corpus test loads: tables with
-- quoted names, an index, a view, a trigger with a body of several
-- statements, and data with quotes, line feeds, NULLs and a blob.
create table "order items" ("item;id" integer primary key, [name] text not null, `price` real, note text);
create table log (at integer, what text);
create index items_by_name on "order items" ([name]);
create view cheap as select [name], `price` from "order items" where `price` < 5;
create trigger items_logged after insert on "order items" begin
  insert into log values (new."item;id", 'added; ' || new.[name]);
  update log set what = what || '!' where at = new."item;id";
end;
insert into "order items" values (1, 'tea', 3.5, 'it''s; fine');
insert into "order items" values (2, 'coffee', 7.25, 'two
lines');
insert into "order items" values (3, 'water', 0, NULL);
create table blobs (b blob);
insert into blobs values (x'00ff3b27');
