// iFile: the holder through which every file of the program is opened,
// read, written and closed.
//
// This header so far declares the holder's nested errors, which the file
// classes throw:
//   FileReadError     a short or failed read in throwing mode; the message is
//                     the file's name after its last "|"
//   FileWriteError    the same for writes
//   TooManyOpenFiles  the descriptor limit reached at open; the message is
//                     the name exactly as given to open
// Each adds nothing to iException, so only the type tells them apart.
#pragma once

#include "support/exception/exception.h"

namespace morvane {

class iFile {
 public:
  class FileReadError : public iException {
   public:
    using iException::iException;
  };
  class FileWriteError : public iException {
   public:
    using iException::iException;
  };
  class TooManyOpenFiles : public iException {
   public:
    using iException::iException;
  };
};

}  // namespace morvane
