FreeAllFrags();
AddRect(1,2,11,22,14);
SetActiveLayer(3);
Flip(0,1);
