// The tool routes are compiled into this library; this file keeps it non-empty.
namespace nubo {}
