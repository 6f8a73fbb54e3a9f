[ASM Model]
Name=KVX300C KVXreal C controller
ArtNo=320-3000
Model=300
Code=31
Options=248
TaskMask=FFFF
Revisions=KVX300C\Revisions.txt
Velmoro=Velmoro Optima C
