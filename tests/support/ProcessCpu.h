#pragma once

// CPU seconds this process has used so far, user and system together; negative when unknown.
double ProcessCpuSeconds();
