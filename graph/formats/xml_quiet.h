// libxml2 prints what it meets to standard error unless told otherwise; while one of these
// lives, its process-wide error handlers print nothing (the readers collect errors through
// their own handlers and turn the first into the run's ERROR line).
#pragma once

struct _xmlError;

class QuietLibxml {
  public:
    QuietLibxml();
    ~QuietLibxml();
    QuietLibxml(const QuietLibxml&) = delete;
    QuietLibxml& operator=(const QuietLibxml&) = delete;

  private:
    void* genericContext_;
    void (*genericHandler_)(void*, const char*, ...);
    void* structuredContext_;
    void (*structuredHandler_)(void*, _xmlError*);
};
