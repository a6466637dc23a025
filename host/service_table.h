#pragma once
extern "C" const void *const ServiceTable[];
