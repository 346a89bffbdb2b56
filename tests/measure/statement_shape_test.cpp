// Statement shapes: the literals a program varies become $n, and nothing
// else of the statement changes its shape.
#include "measure/statement_shape.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(StatementShape, LiteralsBecomeNumberedPlaceholdersAndTheRestStays) {
  const struct {
    const char* text;
    const char* shape;
  } cases[] = {
      {"select v from kv where id = 42;", "select v from kv where id = $1"},
      {"insert into t values (1, 'it''s', -2.5e3, E'a\\'b', $q$x'y$q$)", "insert into t values ($1, $2, $3, $4, $5)"},
      {"SELECT  *\n\tFROM t -- note 7\nWHERE a = /* 8 /* nested 9 */ */ 3", "SELECT * FROM t WHERE a = $1"},
      {"update t1 set c2 = $1 where \"col 3\" = 0x1F", "update t1 set c2 = $1 where \"col 3\" = $1"},
      {"select f( 1 , 2 ) , .5", "select f($1, $2), $3"},
      {"select 'never closed", "select $1"},
      {"update b set x = x + -3 where y = a -1", "update b set x = x + $1 where y = a -$2"},
  };
  for (const auto& c : cases) EXPECT_EQ(statement_shape(c.text), c.shape) << c.text;
}

TEST(StatementShape, AHugeStatementIsCutToTheLimit) {
  std::string text = "insert into t values ";
  for (int i = 0; i < 100000; ++i) text += "(x),";
  std::string shape = statement_shape(text);
  EXPECT_LE(shape.size(), kMaxShapeLength + 3);
  EXPECT_EQ(shape.substr(shape.size() - 3), "...");
}

}  // namespace
}  // namespace tarnwick
