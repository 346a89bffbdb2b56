-- "quit" ends only the script it is in: this one still runs.
select count(*) as cities from city;
