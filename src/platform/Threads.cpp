#include "platform/Threads.h"

#include <system_error>
#include <utility>

TThread::TThread(std::function<void()> body, std::size_t stackBytes) : Body_(std::move(body)) {
  pthread_attr_t attributes;
  int error = pthread_attr_init(&attributes);
  if (error != 0) throw std::system_error(error, std::generic_category(), "pthread_attr_init");
  error = pthread_attr_setstacksize(&attributes, stackBytes);
  if (error == 0) error = pthread_create(&Thread_, &attributes, &TThread::Run, this);
  pthread_attr_destroy(&attributes);
  if (error != 0) throw std::system_error(error, std::generic_category(), "pthread_create");
  Joinable_ = true;
}

void TThread::Join() {
  if (!Joinable_) return;
  pthread_join(Thread_, nullptr);
  Joinable_ = false;
}

void *TThread::Run(void *self) {
  static_cast<TThread *>(self)->Body_();
  return nullptr;
}
