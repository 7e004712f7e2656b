FreeAllFrags();
AddText(12,-3,-24,0,0,0,700,1,0,0,204,0,0,0,0,"Arial","A \"quoted\", (text)",14);
AddMask("LANG1.tmp",14);
SelectWholeImage();
CanvasSize({-1,2,30,40});
CreateNewImage("New",640,480,72,2,{64,128,192});
