[ASM Model]
Name=Lumen room unit
ArtNo=330-0500
Model=50
Code=5
Options=120
TaskMask=0F
Revisions=
Velmoro=Velmoro Lumen
