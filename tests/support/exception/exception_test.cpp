#include "support/exception/exception.h"

#include <gtest/gtest.h>

#include <string>

#include "support/file/file.h"

namespace morvane {
namespace {

std::string text(const WString& value) { return value.narrow(0); }

TEST(Exception, BuiltFromAMessage) {
  iException error("abc");
  EXPECT_EQ(error.code(), -1);
  EXPECT_EQ(text(error.what()), "abc");
  EXPECT_TRUE(error.stack_trace().empty());
  EXPECT_STREQ(error.type_name(), "Generic exception");
}

TEST(Exception, WhatAppendsANonEmptyStackTrace) {
  iException error(WString("m", codepage_latin1), WString("t", codepage_latin1));
  EXPECT_EQ(text(error.what()), "m\n**stack trace**\nt");
  iException copy(error);
  EXPECT_EQ(copy.code(), -1);
  EXPECT_EQ(text(copy.what()), "m\n**stack trace**\nt");
}

TEST(Exception, FileErrorsAreCaughtAsTheRootAndKeepTheirMessage) {
  try {
    throw iFile::FileReadError(WString("data.bin", codepage_latin1));
  } catch (const iException& caught) {
    iException error(caught);  // a copy, as a catch by value makes
    EXPECT_EQ(text(error.what()), "data.bin");
    EXPECT_STREQ(error.type_name(), "Generic exception");
    EXPECT_EQ(error.code(), -1);
  }
  EXPECT_THROW(throw iFile::FileWriteError("w"), iException);
  EXPECT_THROW(throw iFile::TooManyOpenFiles("t"), iFile::TooManyOpenFiles);
  try {
    throw iFile::TooManyOpenFiles("name");
  } catch (const iFile::FileReadError&) {
    FAIL() << "only the type tells the file errors apart";
  } catch (const iException& error) {
    EXPECT_EQ(text(error.message()), "name");
  }
}

TEST(Exception, MessageIsSharedNotCopied) {
  WString message("Invalid 64 bit call", codepage_latin1);
  iException error(message);
  EXPECT_TRUE(error.message().shares_body_with(message));
  EXPECT_EQ(text(iException(WString()).what()), "");
}

}  // namespace
}  // namespace morvane
