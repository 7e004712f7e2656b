// hand written
/* block
*/
SelectWholeImage();
BeginJPEGSeq("C:\\out\\anim");
Undo();

