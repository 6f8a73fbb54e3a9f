[ASM Model]
Name=KVX210 air handling controller
ArtNo=310-2100
Model=210
Code=13
Options=124
TaskMask=3F
Revisions=KVX210\Revisions.txt
Velmoro=Velmoro Optima
