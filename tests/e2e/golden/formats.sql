create table q (id int, a text, b int);
insert into q values (1, 'x,y', 10), (2, 'q"uote', NULL), (3, 'line
feed', 30), (4, '', 40), (5, NULL, 50), (6, '\.', 60), (7, 'tab	here', 70), (8, 'p|ipe', 80), (9, 'crhere', 90);
select id, a, b from q order by id;
select id, a from q where id < 0;
