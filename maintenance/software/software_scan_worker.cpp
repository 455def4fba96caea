#include "maintenance/software/software_scan_worker.h"

namespace nubo {

SoftwareScanWorker::~SoftwareScanWorker() { Cancel(true); }

void SoftwareScanWorker::Cancel(bool wait) {
  ++generation_;
  if (wait && worker_.joinable()) worker_.join();
}

}  // namespace nubo
