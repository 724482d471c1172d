// The application's single instances that are not the sensor link's.
#include "core/app_state.h"

int target = RAM;
int pHandle, pPopup, pPara1, pPara2, pCalib;
char proj_dir[kPathSize];
char file_name[kPathSize];
char rec_fname[kPathSize];
char szSoftVersion[kTextSize];
char szSoftName[kTextSize];
uint16_t adcbuf[kLineCount];
uint16_t linArray[2048];
double arrayNORM[600];
