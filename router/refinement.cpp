#include "router/router.h"

void Router::rectilinearizeSMT() {}
void Router::rmRedundentVers() {}
void Router::moveSegments() {}
