#include "converter/deploy.h"

void DeployConverter(FormFields&) {}
void OpenCatalogue() {}
