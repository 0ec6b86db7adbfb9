#include "shell/frm_main.h"

#include "display/pictures.h"

TfrmMain *frmMain = nullptr;

TfrmMain::TfrmMain()
    : imgRes("imgRes", ResPicture),
      shpBaseL("shpBaseL", Canvas),
      shpBaseC("shpBaseC", Canvas),
      shpBaseR("shpBaseR", Canvas),
      imgScad1("imgScad1", Scad1Picture),
      imgScad2("imgScad2", Scad2Picture),
      imgScad3("imgScad3", Scad3Picture) {}
