// Stream reader and writer interfaces. Only their shape is provided here; the
// renderer never creates streams.

#ifndef CEF_INCLUDE_CEF_STREAM_H_
#define CEF_INCLUDE_CEF_STREAM_H_
#pragma once

#include "include/cef_base.h"

///
// Interface the client can implement to provide a custom stream reader. The
// methods of this class may be called on any thread.
///
class CefReadHandler : public virtual CefBase {
 public:
  ///
  // Read raw binary data.
  ///
  virtual size_t Read(void* ptr, size_t size, size_t n) = 0;

  ///
  // Seek to the specified offset position. |whence| may be any one of
  // SEEK_CUR, SEEK_END or SEEK_SET. Return zero on success and non-zero on
  // failure.
  ///
  virtual int Seek(int64 offset, int whence) = 0;

  ///
  // Return the current offset position.
  ///
  virtual int64 Tell() = 0;

  ///
  // Return non-zero if at end of file.
  ///
  virtual int Eof() = 0;

  ///
  // Return true if this handler performs work like accessing the file system
  // which may block. Used as a hint for determining the thread to access the
  // handler from.
  ///
  virtual bool MayBlock() = 0;
};

///
// Class used to read data from a stream. The methods of this class may be
// called on any thread.
///
class CefStreamReader : public virtual CefBase {
 public:
  ///
  // Read raw binary data.
  ///
  virtual size_t Read(void* ptr, size_t size, size_t n) = 0;

  ///
  // Seek to the specified offset position. |whence| may be any one of
  // SEEK_CUR, SEEK_END or SEEK_SET. Returns zero on success and non-zero on
  // failure.
  ///
  virtual int Seek(int64 offset, int whence) = 0;

  ///
  // Return the current offset position.
  ///
  virtual int64 Tell() = 0;

  ///
  // Return non-zero if at end of file.
  ///
  virtual int Eof() = 0;

  ///
  // Returns true if this reader performs work like accessing the file system
  // which may block. Used as a hint for determining the thread to access the
  // reader from.
  ///
  virtual bool MayBlock() = 0;
};

///
// Interface the client can implement to provide a custom stream writer. The
// methods of this class may be called on any thread.
///
class CefWriteHandler : public virtual CefBase {
 public:
  ///
  // Write raw binary data.
  ///
  virtual size_t Write(const void* ptr, size_t size, size_t n) = 0;

  ///
  // Seek to the specified offset position. |whence| may be any one of
  // SEEK_CUR, SEEK_END or SEEK_SET. Return zero on success and non-zero on
  // failure.
  ///
  virtual int Seek(int64 offset, int whence) = 0;

  ///
  // Return the current offset position.
  ///
  virtual int64 Tell() = 0;

  ///
  // Flush the stream.
  ///
  virtual int Flush() = 0;

  ///
  // Return true if this handler performs work like accessing the file system
  // which may block. Used as a hint for determining the thread to access the
  // handler from.
  ///
  virtual bool MayBlock() = 0;
};

///
// Class used to write data to a stream. The methods of this class may be called
// on any thread.
///
class CefStreamWriter : public virtual CefBase {
 public:
  ///
  // Write raw binary data.
  ///
  virtual size_t Write(const void* ptr, size_t size, size_t n) = 0;

  ///
  // Seek to the specified offset position. |whence| may be any one of
  // SEEK_CUR, SEEK_END or SEEK_SET. Returns zero on success and non-zero on
  // failure.
  ///
  virtual int Seek(int64 offset, int whence) = 0;

  ///
  // Return the current offset position.
  ///
  virtual int64 Tell() = 0;

  ///
  // Flush the stream.
  ///
  virtual int Flush() = 0;

  ///
  // Returns true if this writer performs work like accessing the file system
  // which may block. Used as a hint for determining the thread to access the
  // writer from.
  ///
  virtual bool MayBlock() = 0;
};

#endif  // CEF_INCLUDE_CEF_STREAM_H_
