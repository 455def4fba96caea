/* modbus_read_registers in a loop against a Modbus TCP slave on loopback:
 *   libmodbus_loop PORT SECONDS OUTFILE   writes the transactions per second. */
#include <modbus.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static double Now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  modbus_t* context = modbus_new_tcp("127.0.0.1", atoi(argv[1]));
  if (context == NULL || modbus_connect(context) != 0) return 1;
  uint16_t registers[1];
  long count = 0;
  const double start = Now();
  const double end = start + atof(argv[2]);
  while (Now() < end) {
    if (modbus_read_registers(context, 0, 1, registers) != 1) return 1;
    ++count;
  }
  FILE* out = fopen(argv[3], "w");
  if (out == NULL) return 1;
  fprintf(out, "%.0f\n", (double)count / (Now() - start));
  fclose(out);
  modbus_close(context);
  modbus_free(context);
  return 0;
}
