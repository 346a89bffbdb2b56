create table customers (id serial primary key, name text not null, note text, created date default '2024-01-01');
create sequence invoice_no start 1000;
create table invoices (id bigint primary key default nextval('invoice_no'), customer int references customers, total numeric(10,2), tags text[], meta jsonb);
create function touch() returns trigger language plpgsql as $$
begin
  new.note := coalesce(new.note, '') || ';touched';
  return new;
end;
$$;
create trigger customers_touch before insert on customers for each row execute function touch();
create view big_invoices as select c.name, i.total from invoices i join customers c on c.id = i.customer where i.total > 10;
insert into customers (name, note) values ('Ann', E'tab\there'), ('Bob', null), ('Zoë', 'back\slash'), ('semi;colon', '$$dollar$$');
insert into invoices (customer, total, tags, meta) values (1, 12.5, '{a,b}', '{"k": [1,2]}'), (2, 3, null, null), (3, 99.99, '{"x y"}', '{"n": null}');
comment on table customers is 'People; who buy';
