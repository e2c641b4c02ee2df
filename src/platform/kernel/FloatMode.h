// Denormal floats (the tails of decaying filters over silence) cost a
// hundred times a normal one on x86. While one of these lives, the thread
// treats them as zero; the previous mode comes back at its end.
#pragma once

class TFlushDenormals {
 public:
  TFlushDenormals();
  ~TFlushDenormals();
  TFlushDenormals(const TFlushDenormals&) = delete;
  TFlushDenormals& operator=(const TFlushDenormals&) = delete;

 private:
  unsigned previous_ = 0;
};
