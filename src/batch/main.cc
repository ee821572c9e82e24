// Placeholder so the build configures while quilmar-batch is being built; replaced by the real code.
#include <cstdio>
int main() {
  std::fputs("quilmar-batch: not built yet\n", stderr);
  return 1;
}
