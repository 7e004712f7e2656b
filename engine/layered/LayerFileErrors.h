// The exceptions of the layered file, all kinds of layer_error: a caller
// that catches the base catches every one, and what() says what went wrong
// in words a user can be shown.
#pragma once

#include "engine/layers/Layer.h"

// A file or stream that cannot be used (a null file or stack).
class layer_err_iofile : public layer_error {
 public:
  layer_err_iofile() : layer_error("the file cannot be used") {}
  explicit layer_err_iofile(const char* what) : layer_error(what) {}
};

// Anything wrong while a document is read: a damaged or truncated file, or
// one whose kind this program does not read.
class layer_err_fread : public layer_err_iofile {
 public:
  layer_err_fread() : layer_err_iofile("the file is damaged or not a layered image") {}
  explicit layer_err_fread(const char* what) : layer_err_iofile(what) {}
};

// A document that cannot be written where it was to go; the file that was
// there is left as it was.
class layer_err_fwrite : public layer_err_iofile {
 public:
  layer_err_fwrite() : layer_err_iofile("the file cannot be written") {}
  explicit layer_err_fwrite(const char* what) : layer_err_iofile(what) {}
};
